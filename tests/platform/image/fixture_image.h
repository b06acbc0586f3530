// SPDX-License-Identifier: GPL-3.0-or-later
// The disk image fixture's folder and the image the tests open in it. Under
// AddressSanitizer libewf cannot be loaded (libyal_library.h says why): the
// VMDK of the same disk stands in for the E01 there.
#pragma once

#include <filesystem>
#include <string>

namespace trovana::test::image_fixture {

inline const std::filesystem::path kFixture = TROVANA_IMAGE_FIXTURE;
#ifdef TROVANA_SANITIZED
inline const std::string kImage = "disk.vmdk";
#else
inline const std::string kImage = "disk.E01";
#endif

}  // namespace trovana::test::image_fixture
