a = 7 % 3 + 10 / 4 * 2 - -1
b = 1.5 * 2 > a || !(a == 5) && a <> 3
c = b ? "yes" : "no"
d = $FF00FF + $10
BlankClip(length=a, width=64, height=48, pixel_type="YUY2", color=d)
ConvertToRGB32(matrix="PC.709").ConvertToYV12(matrix="Rec709")
