// Where the build put the test pictures and where the sources are. Kept in
// this one file, so that no other test file depends on the checkout's path
// (a compiler cache then serves every checkout on the machine).
#include "support.h"

namespace lgtest {

const char* BuiltInTestDataDir() { return LG_TESTDATA_DIR; }
const char* SourceDir() { return LG_SOURCE_DIR; }

}  // namespace lgtest
