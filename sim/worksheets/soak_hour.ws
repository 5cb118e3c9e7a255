# An hour's run: all six kinds on the two built-in simulated network devices.
# The first measures 16 analog channels at 10 kHz (time base 3), a frequency
# and an impulse count and the four lines of port "PB" at 1 kHz (time base
# 2); the second takes the host's sine, square wave and ramp through an
# analog output, a digital output and a 100 Hz PWM output.
tarnova-sim-worksheet 1
timebase 1 0.01 1
timebase 2 0.001 100
timebase 3 0.0001 1000
source sine sine amp=2 freq=0.5 timebase=2
source square square amp=5 freq=1.25 timebase=2
source ramp ramp amp=40 offset=50 freq=0.5 timebase=2
module KWE:AnalogIn
create
name AnalogIn1
io 0 16
poke 80 str \?\eth#1#SIM-1001#192.168.10.21#00:1A:2B:3C:4D:01#kw-eth-1
poke 2080 u32 3
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
module KWE:AnalogOut
create
name SineOut
io 1 0
poke 80 str \?\eth#2#SIM-1002#192.168.10.22#00:1A:2B:3C:4D:02#kw-eth-2
end
module KWE:DigitalOut
create
name SquareOut
io 1 0
poke 80 str \?\eth#2#SIM-1002#192.168.10.22#00:1A:2B:3C:4D:02#kw-eth-2
end
# Channel 0 of the counter output: PWM at 100 Hz (offset 456).
module KWE:CounterOut
create
name RampOut
io 1 0
poke 80 str \?\eth#2#SIM-1002#192.168.10.22#00:1A:2B:3C:4D:02#kw-eth-2
poke 456 f64 100
end
connect sine SineOut 0
connect square SquareOut 0
connect ramp RampOut 0
