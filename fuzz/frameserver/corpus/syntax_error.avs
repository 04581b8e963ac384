# A script with a mistake on line 3.
clip = BlankClip(length=10, pixel_type="YV12")
clip.Trim(0, 4
