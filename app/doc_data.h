#pragma once
// What the module keeps per open drawing. Nothing yet: the record exists so that the
// module's per-drawing bookkeeping follows the drawings from the start.

struct CDocData {
};
