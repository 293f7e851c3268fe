#pragma once
// The component's side of zlib: a negative zlib result becomes
// EZCompressionError "error".

namespace tv::zip {

// Returns the code when it is 0 or above; raises EZCompressionError otherwise.
int ZCompressCheck(int code);

}  // namespace tv::zip
