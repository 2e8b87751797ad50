// Starting values of the Blowfish key schedule, as published: the digits of
// pi. A cipher copies them and mixes its key in.
#pragma once

#include <array>

#include "crypto/uOV_BlockCiphers.h"

extern const TBlowfishPArray kBlowfishInitialPArray;
extern const std::array<TBlowfishSBox, 4> kBlowfishInitialSBoxes;
