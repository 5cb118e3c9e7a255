# Load case: one analog input reading all 16 channels of the first simulated
# network device at 10 kHz (time base 2: 0.1 ms, blocks of 1000). Run it in
# real time for a few seconds: the run ends on time and every channel's CSV
# holds every sample.
tarnova-sim-worksheet 1
timebase 1 0.01 1
timebase 2 0.0001 1000
module KWE:AnalogIn
create
name AnalogIn1
io 0 16
poke 80 str \?\eth#1#KW24-1001#192.168.10.21#00:1A:2B:3C:4D:01#kw-eth-1
poke 2080 u32 2
end
