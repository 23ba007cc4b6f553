#pragma once
// The application object: one instance of every module, wired to the platform
// in one place. Modules reach each other through it.
#include "apps/modIcons.h"
#include "apps/modProbe.h"
#include "catalog/modCatalog.h"
#include "core/modFile.h"
#include "core/modJson.h"
#include "core/modReg.h"
#include "core/modVersion.h"
#include "platform/Platform.h"
#include "startup/modInstance.h"
#include "startup/modMain.h"
#include "trust/modHash.h"
#include "trust/modSign.h"

namespace pankor {

class Pankor {
public:
    explicit Pankor(Platform& platform) noexcept
        : platform(platform), main(*this), instance(*this), reg(*this), file(*this), version(*this), hash(*this), sign(*this), catalog(*this), probe(*this), icons(*this) {}
    Pankor(const Pankor&) = delete;
    Pankor& operator=(const Pankor&) = delete;

    Platform& platform;
    modMain main;
    modInstance instance;
    modReg reg;
    modFile file;
    modVersion version;
    modJson json;
    modHash hash;
    modSign sign;
    modCatalog catalog;
    modProbe probe;
    modIcons icons;
};

}  // namespace pankor
