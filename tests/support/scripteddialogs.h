#pragma once
#include "harness.h" // ScriptedDialogs lives there
