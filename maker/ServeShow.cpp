#include "maker/ServeShow.h"

#include <windows.h>

#include "standin/StandIn.h"

namespace maker {

void ServeShow(const MadeResources& made) {
    for (const auto& entry : made)
        standin::ReplaceResource(WORD(ULONG_PTR(RT_RCDATA)), WORD(entry.first), entry.second.data(),
                                 DWORD(entry.second.size()));
}

}  // namespace maker
