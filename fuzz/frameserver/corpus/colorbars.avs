# Colour bars, NTSC DVD size, ten seconds.
ColorBars(width=720, height=480, pixel_type="YV12")
Trim(0, 299)
