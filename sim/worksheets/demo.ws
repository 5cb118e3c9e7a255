# Demo worksheet: one analog input module reading four channels of the first
# simulated network device, clocked by time base 2 at 1 kHz in blocks of 100.
# The module writes its defaults on "create"; the lines after it set the
# connection count, the device string (offset 80) and the time base (2080).
tarnova-sim-worksheet 1
timebase 1 0.01 1
timebase 2 0.001 100
module KWE:AnalogIn
create
name AnalogIn1
io 0 4
poke 80 str \?\eth#1#SIM-1001#192.168.10.21#00:1A:2B:3C:4D:01#kw-eth-1
poke 2080 u32 2
end
