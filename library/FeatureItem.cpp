#include "FeatureItem.h"

#include <utility>

FeatureItem::FeatureItem(PallixString text, PallixString path) : mText(std::move(text)), mPath(std::move(path)) {}
