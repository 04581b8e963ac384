# RGB video: the program asks for ConvertToYV12().
BlankClip(length=100, width=720, height=576, fps=25, color=$2040C0)
