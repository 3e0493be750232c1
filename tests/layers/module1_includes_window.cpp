// Must not compile: Module1 sits below the windows and cannot see their headers.
#include "module1/module1.h"

#include "browser/frm_thumbs.h"
