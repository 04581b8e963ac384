# Grey and white shots joined by hard cuts, PAL DVD size at 25 frames per second.
# Shots: grey 0-47, white 48-71, grey 72-143, white 144-167 (cuts at 48, 72 and 144).
grey = BlankClip(length=48, width=720, height=576, pixel_type="YV12", fps=25, color=$808080)
white = BlankClip(length=24, width=720, height=576, pixel_type="YV12", fps=25, color=$FFFFFF)
grey ++ white ++ grey ++ grey.Trim(0, 23) ++ white
