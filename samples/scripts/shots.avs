# Four coloured shots, NTSC DVD size: hard cuts at frames 60 and 105, then blue dissolves
# into grey over frames 180-194 (210 frames in all).
red   = BlankClip(length=60, width=720, height=480, pixel_type="YV12", \
                  fps=30000, fps_denominator=1001, color=$C02020)
green = BlankClip(red, length=45, color=$20A040)
blue  = BlankClip(red, length=90, color=$2040C0)
grey  = BlankClip(red, length=30, color=$808080)
red ++ green ++ Dissolve(blue, grey, 15)
