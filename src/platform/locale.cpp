// Locale services.
