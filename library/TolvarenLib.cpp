// Anchor of libtolvaren.so: the exports live in the subsystem libraries
// linked into it whole.
