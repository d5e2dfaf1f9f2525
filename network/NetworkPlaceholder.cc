// placeholder until the network set-up lands
