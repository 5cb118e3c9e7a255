# Signal sources of the simulated host feeding an analog output: a sine on
# channel 0 and a list of steps on channel 1, both on time base 1 (one value
# every 10 ms); global variable 3 is 50 and becomes 120 after half a second.
# The runner writes what each source fed to source_<name>.csv.
tarnova-sim-worksheet 1
numbers separator=. leadingzero=1
timebase 1 0.01 1
timebase 2 0.001 100
var 3 50
at 0.5 var 3 120
source wave sine amp=2 freq=1 offset=0 phase=0 timebase=1
source steps list values=0,1,2.5,-1 repeat=1 timebase=1
module KWE:AnalogOut
create
name AnalogOut1
io 2 0
poke 80 str \?\eth#1#SIM-1001#192.168.10.21#00:1A:2B:3C:4D:01#kw-eth-1
poke 2080 u32 1
end
connect wave AnalogOut1 0
connect steps AnalogOut1 1
