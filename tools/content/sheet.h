#pragma once
// The contact sheet: every picture as a thumbnail with its name and size, one
// PNG (through libpng) for reviewers.
#include <string>
#include <vector>

#include "canvas.h"
#include "pictures.h"

// One picture at its own size, grey levels as the show decodes them.
bool writePicturePng(const std::string& path, const Canvas& cv);

bool writeContactSheet(const std::string& path, const std::vector<Canvas>& pictures);
