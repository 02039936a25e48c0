// The transmit power data set lives in the core; screens include it from here as before.
#pragma once

#include "operations/transmitPowerDataSet.h"
