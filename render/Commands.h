// The sub-commands of avrel-render. Each takes the arguments after its name
// and returns the process exit code; messages go to stderr.
#pragma once

int PictureCommand(int argc, char** argv);
int ShowCommand(int argc, char** argv);
