# The main window and the help box (to come).
