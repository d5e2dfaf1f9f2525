// placeholder until the port stack lands
