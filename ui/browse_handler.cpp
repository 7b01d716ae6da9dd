// Filled in by its service.
