# Demo clip: colour bars and coloured shots joined by hard cuts, PAL DVD size at 25 fps.
# Shots: bars 0-74, blue 75-124, red 125-174, bars 175-224, blue into red 225-299.
bars = ColorBars(720, 576, pixel_type="YV12").AssumeFPS(25, 1).Trim(0, 74)
blue = BlankClip(bars, length=50, color=$2040A0)
red = BlankClip(bars, length=50, color=$C03020)
bars ++ blue ++ red ++ bars.Trim(0, 49) ++ Dissolve(blue, red, 25)
