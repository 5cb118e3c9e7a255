# Load case: four analog inputs of 16 channels at 100 kHz (time base 2:
# 10 us, blocks of 1000), two on each of the built-in simulated network
# devices: 6.4 million values a second. Run it in real time with --check, so
# that the runner measures the plug-in and the device rather than its writer;
# --timebase 2 S 1000 tries other rates.
tarnova-sim-worksheet 1
timebase 1 0.01 1
timebase 2 0.00001 1000
module KWE:AnalogIn
create
name AnalogIn1
io 0 16
poke 80 str \?\eth#1#SIM-1001#192.168.10.21#00:1A:2B:3C:4D:01#kw-eth-1
poke 2080 u32 2
end
module KWE:AnalogIn
create
name AnalogIn2
io 0 16
poke 80 str \?\eth#1#SIM-1001#192.168.10.21#00:1A:2B:3C:4D:01#kw-eth-1
poke 2080 u32 2
end
module KWE:AnalogIn
create
name AnalogIn3
io 0 16
poke 80 str \?\eth#2#SIM-1002#192.168.10.22#00:1A:2B:3C:4D:02#kw-eth-2
poke 2080 u32 2
end
module KWE:AnalogIn
create
name AnalogIn4
io 0 16
poke 80 str \?\eth#2#SIM-1002#192.168.10.22#00:1A:2B:3C:4D:02#kw-eth-2
poke 2080 u32 2
end
