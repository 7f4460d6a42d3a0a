#pragma once
#include "app/timing.h"

class Dialogs;
class PortCatalogue;
class SettingsStore;
class InstanceGuard;

// Everything Form1 needs from outside the program; tests put fakes here.
struct Services
{
    Dialogs *dialogs = nullptr;
    PortCatalogue *ports = nullptr;
    SettingsStore *settings = nullptr;
    InstanceGuard *instance = nullptr;
    Timing timing;
};
