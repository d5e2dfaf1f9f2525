// placeholder until the host modules land
