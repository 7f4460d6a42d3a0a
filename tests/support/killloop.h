#pragma once
#include "harness.h" // KillLoop lives there
