// Which mode a command line asks for. Only the first two characters count,
// compared without regard to the case of the ASCII letters A to Z.
#pragma once

enum class SaverMode { None = 0, Configure = 1, Run = 2 };

// Empty, "/c" or "-c" configure; "/s" or "-s" run; everything else, the
// preview request "/p" included, is None: the program ends at once.
SaverMode ChooseSaverMode(const char* commandLine);
