#pragma once

#include "logic/endpoints.h"

// The endpoints an executable was built with, compiled in from the build's
// configuration: each executable that reads them links one definition. Only
// an entry reads them, and hands them on as a value.
extern const Endpoints ConfiguredEndpoints;
