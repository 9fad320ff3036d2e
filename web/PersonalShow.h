// The personal show of the page: a show made from the visitor's photos (by
// the page's maker, in a worker) or carried by a saved page, served to the
// show in place of its own pictures exactly as `avrel -pictures` serves a
// folder's show.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "maker/MadeShow.h"

class PersonalShow {
public:
    virtual ~PersonalShow();

    // Takes the packed show in `bytes` to play from the show's next start.
    // "" when it is one, else the message; what plays is then unchanged.
    virtual std::string Take(const unsigned char* bytes, size_t size);
    // The show's own pictures from its next start.
    virtual void Drop();
    // Serves what was taken, or nothing when it was dropped. Only while no
    // thread of the show runs: the bytes served before go.
    virtual void Apply();

    // The pictures of the show that plays without a personal show (the
    // page's own, or those of a chosen program file), packed for the maker.
    virtual std::vector<unsigned char> BasePictures() const;

private:
    maker::MadeResources served;
    maker::MadeResources taken;
    bool change = false;
};
