// Reference counting shared by every backend object: a new object holds one reference and the
// release of the last one deletes it.
#pragma once

#include "gfx/d3d9.h"

template <typename Interface>
class RefCounted : public Interface {
 public:
  ULONG AddRef() override { return ++references_; }
  ULONG Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  ~RefCounted() override = default;

 private:
  ULONG references_ = 1;
};
