// Which mode a command line asks for. Only the first two characters count,
// compared without regard to the case of the ASCII letters A to Z.
#pragma once

enum class SaverMode { None = 0, Configure = 1, Run = 2 };

// Empty, "/c" or "-c" configure; "/s" or "-s" run; everything else, the
// preview request "/p" included, is None: the program ends at once.
SaverMode ChooseSaverMode(const char* commandLine);

// True for "/s one-to-one" (or "-s", the word in any letter case, after any
// blanks): the saver with one screen pixel per stage pixel, as the
// OneToOnePixels setting gives, for tests. Windows never passes a word
// after /s, and any other text there is ignored as before.
bool AsksForOneToOnePixels(const char* commandLine);
