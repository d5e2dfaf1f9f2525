#pragma once

#include <cstddef>
#include <string>

// The images drawn for the "i" tag of a display string: small PNG pictures,
// base64-encoded as Tk's photo images take them. A name without an entry is
// drawn as a labelled box.
struct Icon {
    const char* name;
    int width, height;
    const char* png;
};

extern const Icon ICONS[];
extern const size_t ICON_COUNT;

// The icon named `name`, or null when there is none.
const Icon* find_icon(const std::string& name);
