// Keeps every module library non-empty while its sources are being written.
