# Sound without pictures.
BlankClip(length=100).KillVideo
