# Sourced by the soak and campaign generators: the shuffle they draw from
# and the ports of the shipped test bed (examples/default) that they fail.
# The caller sets "state" (the Park-Miller state, in [1, 2^31 - 2]) first.

# Sets "drawn" to a whole number in [0, $1).
draw() {
  state=$(( state * 16807 % 2147483647 ))
  drawn=$(( state % $1 ))
}

# One end of each cable: the node port for host and array cables, the first
# switch's port for an inter-switch cable (only one end may have a section).
hostPorts=(
  "DataCtr1.Host1.NxPort[0]" "DataCtr1.Host1.NxPort[1]"
  "DataCtr1.Host2.NxPort[0]" "DataCtr1.Host2.NxPort[1]"
  "DataCtr1.Host3.NxPort[0]" "DataCtr1.Host3.NxPort[1]"
  "DataCtr1.Host4.NxPort[0]" "DataCtr1.Host4.NxPort[1]"
  "DataCtr1.Host5.NxPort[0]" "DataCtr1.Host6.NxPort[0]"
  "DataCtr2.Host7.NxPort[0]" "DataCtr2.Host7.NxPort[1]"
  "DataCtr2.Host8.NxPort[0]" "DataCtr2.Host8.NxPort[1]"
  "DataCtr2.Host9.NxPort[0]" "DataCtr2.Host10.NxPort[0]"
)
switchPorts=(
  "DataCtr1.Sw1.SwPort[3]" "DataCtr1.Sw1.SwPort[4]" "DataCtr1.Sw2.SwPort[4]"
  "DataCtr1.Sw3.SwPort[3]" "DataCtr1.Sw3.SwPort[5]" "DataCtr1.Sw4.SwPort[6]"
  "DataCtr2.Sw7.SwPort[6]" "DataCtr2.Sw7.SwPort[5]" "DataCtr2.Sw8.SwPort[6]"
  "DataCtr1.Sw5.SwPort[2]" "DataCtr1.Sw6.SwPort[3]" "DataCtr1.Sw6.SwPort[4]"
  "DataCtr2.Sw10.SwPort[3]" "DataCtr2.Sw10.SwPort[4]"
)
# Target ports of every array, and the remote-mirror initiator ports.
arrayPorts=(
  "DataCtr1.Dev1.Chip[0].NxPort[0]" "DataCtr1.Dev1.Chip[0].NxPort[1]"
  "DataCtr1.Dev1.Chip[1].NxPort[0]" "DataCtr1.Dev1.Chip[1].NxPort[1]"
  "DataCtr2.Dev2.Chip[0].NxPort[0]" "DataCtr2.Dev2.Chip[0].NxPort[1]"
  "DataCtr2.Dev2.Chip[1].NxPort[0]" "DataCtr2.Dev2.Chip[1].NxPort[1]"
  "DataCtr3.Dev3.Chip[0].NxPort[0]" "DataCtr3.Dev3.Chip[0].NxPort[1]"
  "DataCtr3.Dev3.Chip[0].NxPort[2]"
  "DataCtr3.Dev4.Chip[0].NxPort[0]" "DataCtr3.Dev4.Chip[0].NxPort[1]"
  "DataCtr3.Dev4.Chip[0].NxPort[2]"
  "DataCtr1.Dev1.Chip[1].NxPort[2]" "DataCtr1.Dev1.Chip[1].NxPort[3]"
  "DataCtr2.Dev2.Chip[1].NxPort[2]" "DataCtr2.Dev2.Chip[1].NxPort[3]"
)

