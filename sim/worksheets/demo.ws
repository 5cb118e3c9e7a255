# Demo worksheet: the three input kinds on the first simulated network device,
# clocked by time base 2 at 1 kHz in blocks of 100: an analog input reading
# four channels, a counter input measuring a frequency (channel 0) and
# counting impulses (channel 1), and a digital input reading the four lines of
# port "PB". Each module writes its defaults on "create"; the lines after it
# set the connection count, the device string (offset 80), the time base and
# the kind's own settings.
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
# Counter modes at 352 + 96 c + 92: 1 frequency, 0 impulse count.
module KWE:CounterIn
create
name CounterIn1
io 0 2
poke 80 str \?\eth#1#SIM-1001#192.168.10.21#00:1A:2B:3C:4D:01#kw-eth-1
poke 444 u32 1
poke 540 u32 0
poke 1888 u32 2
end
# Port index at 1828: 1 is "PB", lines 4 to 7.
module KWE:DigitalIn
create
name DigitalIn1
io 0 4
poke 80 str \?\eth#1#SIM-1001#192.168.10.21#00:1A:2B:3C:4D:01#kw-eth-1
poke 1824 u32 2
poke 1828 u32 1
end
