#include "web/PersonalShow.h"

#include "standin/StandIn.h"
#include "maker/BasePictures.h"
#include "maker/ServeShow.h"
#include "web/ShowBlocks.h"

PersonalShow::~PersonalShow() = default;

std::string PersonalShow::Take(const unsigned char* bytes, size_t size) {
    maker::MadeResources show;
    if (!maker::UnpackShow(bytes, size, kPageShowKey, &show))
        return "The show to play is damaged; the pictures that play stay.";
    taken = std::move(show);
    change = true;
    return "";
}

void PersonalShow::Drop() {
    taken.clear();
    change = true;
}

void PersonalShow::Apply() {
    if (!change)
        return;
    change = false;
    standin::RestoreResources();
    served = std::move(taken);
    taken.clear();
    maker::ServeShow(served);
}

std::vector<unsigned char> PersonalShow::BasePictures() const {
    return maker::PackShow(kBasePicturesKey, maker::ModulePictures());
}
