# Imports another script (found beside this one) and keeps its frames 40-79.
Import("grey_white_cuts.avs")
Trim(40, 79)
