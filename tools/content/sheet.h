#pragma once
// The contact sheet: every picture as a thumbnail with its name and size, one
// PNG (through libpng) for reviewers.
#include <string>
#include <vector>

#include "canvas.h"
#include "pictures.h"

bool writeContactSheet(const std::string& path, const std::vector<Canvas>& pictures);
