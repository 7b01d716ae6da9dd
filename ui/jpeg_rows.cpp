// Placeholder until the decoder lands.
