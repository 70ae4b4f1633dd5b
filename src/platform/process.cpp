// Engine process, pipe and wait services.
