// SPDX-License-Identifier: GPL-3.0-or-later
// The image gallery's three HTML pages: a frameset ("frame.htm") of the
// thumbnails on the left ("left.htm") and, on the right, the picture that
// was clicked ("right.htm", empty until then). Pure text work, so that the
// exact bytes can be checked without a window.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace trovana::operations {

inline constexpr const char* GALLERY_FRAME = "frame.htm";
inline constexpr const char* GALLERY_LEFT = "left.htm";
inline constexpr const char* GALLERY_RIGHT = "right.htm";
// Pictures are written in groups of four while 100 x the group's first
// index is at most 40000, so the page holds at most 404 of them.
inline constexpr int kGalleryGroup = 4;
inline constexpr int kGalleryLastGroupStart = 400;
// So the page has room for this many pictures; a list's later ones are not shown.
inline constexpr int kGalleryMostPictures = kGalleryLastGroupStart + kGalleryGroup;
// The progress is reported at every image index that is a multiple of 20.
inline constexpr int kGalleryProgressStep = 20;

// Reports the share of pictures done, 0 to 100.
using GalleryProgress = std::function<void(int percent)>;

std::string GalleryFramePage();
std::string GalleryRightPage();
// The thumbnails of the pictures in this order: addresses, or absolute
// local paths (written as file URLs).
std::string GalleryLeftPage(const std::vector<std::string>& imageFiles, const GalleryProgress& progress);

// A local path as a file URL in which every byte but letters, digits,
// "-._~" and "/" is percent-encoded, so that a blank, "&", "#", "?", "%"
// or a quote in the path still leads to exactly that file.
std::string FileUrl(std::string_view path);
// Text for a double-quoted HTML attribute: &, ", < and > as references.
std::string EscapeAttribute(std::string_view text);

// Writes the three pages into the folder (pictures as for the left page). False when "left.htm" could not
// be written (or "frame.htm", without which there is no gallery); a
// "right.htm" that cannot be written is left out.
bool WriteGalleryPages(const std::filesystem::path& folder, const std::vector<std::string>& imageFiles,
                       const GalleryProgress& progress);

}  // namespace trovana::operations
