Import("fuzz.avs")
