bestsave on cpu-board.w
route 25
clean 2
write session cpu-board.ses
