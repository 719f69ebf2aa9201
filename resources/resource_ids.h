// Resource ids shared by the code and the resource script.
#pragma once

#define IDS_PROFILE_FILE 1001
#define IDS_PROFILE_SECTION 1007
