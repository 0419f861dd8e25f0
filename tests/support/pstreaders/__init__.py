"""Independent PST readers behind one normalized JSON shape (see ../README.md)."""
