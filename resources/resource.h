// Symbolic names of QUILL32's resource ids. The numbers are fixed: language
// modules carry the same ids.
#pragma once

#define IDS_APP_NAME 817
