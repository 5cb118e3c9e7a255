# Loopback worksheet: on the second simulated network device, whose outputs
# drive its own inputs (sim/worksheets/demo.cfg), the simulated host's sources
# go out through the output modules and come back through input modules:
# a sine through an analog output into analog input channel 0, a square wave
# through a digital output into the digital input's line 0, and a ramp as the
# duty cycle of a 100 Hz PWM output into a counter measuring pulse widths.
tarnova-sim-worksheet 1
timebase 1 0.01 1
timebase 2 0.001 100
source sine sine amp=2 freq=0.5 timebase=2
source square square amp=5 freq=1.25 timebase=2
source ramp ramp amp=40 offset=50 freq=0.5 timebase=2
module KWE:AnalogOut
create
name SineOut
io 1 0
poke 80 str \?\eth#2#SIM-1002#192.168.10.22#00:1A:2B:3C:4D:02#kw-eth-2
end
module KWE:AnalogIn
create
name SineIn
io 0 1
poke 80 str \?\eth#2#SIM-1002#192.168.10.22#00:1A:2B:3C:4D:02#kw-eth-2
end
module KWE:DigitalOut
create
name SquareOut
io 1 0
poke 80 str \?\eth#2#SIM-1002#192.168.10.22#00:1A:2B:3C:4D:02#kw-eth-2
end
module KWE:DigitalIn
create
name SquareIn
io 0 1
poke 80 str \?\eth#2#SIM-1002#192.168.10.22#00:1A:2B:3C:4D:02#kw-eth-2
end
# Channel 0 of the counter output: PWM (the default) at 100 Hz (offset 456).
module KWE:CounterOut
create
name RampOut
io 1 0
poke 80 str \?\eth#2#SIM-1002#192.168.10.22#00:1A:2B:3C:4D:02#kw-eth-2
poke 456 f64 100
end
# Counter mode 3 of channel 0 (offset 444): pulse width in microseconds.
module KWE:CounterIn
create
name WidthIn
io 0 1
poke 80 str \?\eth#2#SIM-1002#192.168.10.22#00:1A:2B:3C:4D:02#kw-eth-2
poke 444 u32 3
end
connect sine SineOut 0
connect square SquareOut 0
connect ramp RampOut 0
