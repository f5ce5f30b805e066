// The piece records of all seven types in their fixed order, with the lookups the rules use.
#pragma once

#include <cstdint>
#include <vector>

#include "ShapeRecord.h"

class ShapeTable {
  public:
    static constexpr int MaxOrientations = 4;

    void Build();
    void Clear();

    const ShapeRecord* FindShape(std::int32_t type, std::int32_t orientation) const;
    std::int32_t ListOrientations(std::int32_t type, std::int32_t out[MaxOrientations]) const;

    const std::vector<ShapeRecord>& Records() const { return records_; }

  private:
    std::vector<ShapeRecord> records_;
};
