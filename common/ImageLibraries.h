// FreeImage and the libraries under it print nothing: a program with windows has no console,
// and a damaged file's warnings are not the user's business. Each process that decodes calls
// SilenceImageLibraries before its first FreeImage call.
#pragma once

namespace decoding {

// Routes FreeImage's messages and libtiff's warnings and errors away from standard error.
void SilenceImageLibraries();

// True when FreeImage reported a failed allocation since the last call: the decode ran out of
// the memory it may take, which is no sign of damage.
bool TakeAllocationFailure();

}  // namespace decoding
