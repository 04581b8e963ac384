# I420 video (U plane before V). This one runs only on the bundled frame server.
BlankClip(length=50, width=352, height=288, pixel_type="I420", fps=25, color=$808080)
