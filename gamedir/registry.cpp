// Filled by the registry reader.
