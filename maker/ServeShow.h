// A made show served to the show in place of the resources of the same
// ids, as a program file would carry them (the stand-in's resource
// replacement): how `avrel -pictures` and the web page play a show of
// photos.
#pragma once

#include "maker/MadeShow.h"

namespace maker {

// The bytes are used in place: they must stay while the show plays. Call it
// before the show's threads start.
void ServeShow(const MadeResources& made);

}  // namespace maker
