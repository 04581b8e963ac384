[* nested [* comment *] *]
global g = ColorBars(160, 120, "YV12").KillAudio().Trim(0, 99)
x = BlankClip(g, length=30, color_yuv=$EB8080)
y = UnalignedSplice(g.Trim(10, 19), x, g.Trim(0, -5))
z = Dissolve(y, x, g, 8).AssumeFPS(25, 1, true)
z.AssumeFPS("pal_video").Trim(3, length=40)
