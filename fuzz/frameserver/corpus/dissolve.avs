# Black dissolving into white over 24 frames, NTSC film rate (24000/1001).
black = BlankClip(length=48, width=720, height=480, pixel_type="YV12", \
                  fps=24000, fps_denominator=1001, color=$000000)
white = BlankClip(black, color=$FFFFFF)
Dissolve(black, white, 24)   # 48 + 48 - 24 = 72 frames; frames 24-47 blend
