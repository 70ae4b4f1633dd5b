// startup_exchange
