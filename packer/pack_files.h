#pragma once

#include "archive/packer_abi.h"

// "Pack files": the listed files made into a torrent at `packedFile` by the maker, with the
// [Create] settings. Progress goes to whichever callback is given; a 0 from it stops the work
// with E_EABORTED and nothing written. The E_ code of the outcome.
int PackTorrent(const WCHAR* packedFile, const WCHAR* subPath, const WCHAR* srcPath,
                const WCHAR* addList, int flags, tProcessDataProcW progressW,
                tProcessDataProc progressA);
