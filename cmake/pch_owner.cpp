// The one source of a target that only precompiles the headers a kind of target shares.
