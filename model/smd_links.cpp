// Weighted links: reading them from a vertex line, and their table's storage.
#include "model/smd_links.h"

#include <cmath>
#include <new>

#include "model/smd_field_scan.h"

SmdLinkTable::~SmdLinkTable() {
  delete[] corners;
  delete[] bindInverses;
  delete[] skinning;
}

bool SmdLinkTable::Allocate(int cornerTotal, int boneTotal) {
  delete[] corners;
  delete[] bindInverses;
  delete[] skinning;
  cornerCount = cornerTotal > 0 ? cornerTotal : 0;
  boneCount = boneTotal > 0 ? boneTotal : 0;
  corners = new (std::nothrow) SmdCornerLinks[static_cast<size_t>(cornerCount) + 1];
  bindInverses = new (std::nothrow) D3DXMATRIX[static_cast<size_t>(boneCount) + 1];
  skinning = new (std::nothrow) D3DXMATRIX[static_cast<size_t>(boneCount) + 1];
  if (corners && bindInverses && skinning) return true;
  delete[] corners;
  delete[] bindInverses;
  delete[] skinning;
  corners = nullptr;
  bindInverses = skinning = nullptr;
  cornerCount = boneCount = 0;
  return false;
}

namespace smd {

void ScanLinks(const char* text, int boneCount, SmdCornerLinks& links) {
  links.count = 0;
  const char* p = text;
  int number = 0;
  float value = 0;
  if (!ScanInt(p, number)) return;
  for (int k = 0; k < 8; ++k)
    if (!ScanFloat(p, value)) return;
  int written = 0;
  if (!ScanInt(p, written) || written <= 0) return;
  // A line holds at most 255 characters, so a count beyond that is cut by the line's end anyway.
  for (int pair = 0; pair < written; ++pair) {
    int bone = 0;
    float weight = 0;
    if (!ScanInt(p, bone) || !ScanFloat(p, weight)) break;
    if (bone < 0 || bone >= boneCount || !(weight > 0.0f) || !std::isfinite(weight)) continue;
    // Kept sorted by weight, largest first; the smallest falls off a full list.
    int at = links.count < SmdCornerLinks::kMaxLinks ? links.count : SmdCornerLinks::kMaxLinks - 1;
    if (links.count == SmdCornerLinks::kMaxLinks && weight <= links.weights[at]) continue;
    while (at > 0 && links.weights[at - 1] < weight) {
      links.bones[at] = links.bones[at - 1];
      links.weights[at] = links.weights[at - 1];
      --at;
    }
    links.bones[at] = bone;
    links.weights[at] = weight;
    if (links.count < SmdCornerLinks::kMaxLinks) ++links.count;
  }
  float sum = 0;
  for (int k = 0; k < links.count; ++k) sum += links.weights[k];
  if (!(sum > 0.0f) || !std::isfinite(sum)) {
    links.count = 0;
    return;
  }
  for (int k = 0; k < links.count; ++k) links.weights[k] /= sum;
}

}  // namespace smd
