v = BlankClip(
  length = 5) ++ Undefined
"unterminated
