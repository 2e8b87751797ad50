#include "platform/ovRegional.h"

ovRegionalSettings SystemRegionalSettings() { return {}; }
