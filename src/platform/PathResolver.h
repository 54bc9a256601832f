// The path resolver lives with the disc's reading; this name is kept for the files that still
// include it from here.
#pragma once

#include "disc/PathResolver.h"
