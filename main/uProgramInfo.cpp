#include "main/uProgramInfo.h"

const char* const kProgramTitle = "Tessellon";
const char* const kProgramVersion = TESSELLON_VERSION;
const char* const kHomePageUrl = "https://tessellon.org/";
const char* const kSupportEmail = "support@tessellon.org";
