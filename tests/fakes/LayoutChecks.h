#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include "runtime/Text.h"
#include "toolkit/Window.h"

namespace sigpatch::fakes {

/// The gaps in twips that a control keeps to the edges of its window's inner
/// area at any size; an edge left free follows the rest of the layout.
struct Gaps {
  static constexpr double kFree = std::numeric_limits<double>::quiet_NaN();
  double left = kFree, top = kFree, right = kFree, bottom = kFree;
};

/// A control of a window's layout and the gaps it keeps.
struct Placed {
  const toolkit::Control* control;
  Gaps gaps;
};

/// Resizes the window (through `resize`, as the user drags its frame) to its
/// present inner size, one and a half times that, three times as wide and three
/// times as high, and checks at each size that every visible control of `layout`
/// lies inside the inner area, keeps its gaps and overlaps none after it; then
/// shrinks the window below its controls (100 x 100, 0 x 0), where no control
/// may get a negative size. Works on the controls of any toolkit; `near` is how
/// far (twips) a place may be off, for a toolkit that rounds to pixels.
inline void ExpectLayoutFollows(const toolkit::Window& window,
                                const std::function<void(double, double)>& resize,
                                const std::vector<Placed>& layout, double near = 1e-3) {
  const double w0 = window.ScaleWidth(), h0 = window.ScaleHeight();
  const auto name = [](const toolkit::Control* c) { return text::toUtf8(c->Name()); };
  for (const auto& [width, height] :
       {std::pair{w0, h0}, {1.5 * w0, 1.5 * h0}, {3 * w0, h0}, {w0, 3 * h0}}) {
    resize(width, height);
    const double w = window.ScaleWidth(), h = window.ScaleHeight();  // as the toolkit made it
    for (auto p = layout.begin(); p != layout.end(); ++p) {
      const auto* c = p->control;
      if (!c->Visible()) continue;
      SCOPED_TRACE(::testing::Message() << name(c) << " in " << w << " x " << h);
      const double got[] = {c->Left(), c->Top(), w - c->Left() - c->Width(),
                            h - c->Top() - c->Height()};
      const double want[] = {p->gaps.left, p->gaps.top, p->gaps.right, p->gaps.bottom};
      for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(got[i] > -near && (std::isnan(want[i]) || std::abs(got[i] - want[i]) < near))
            << got[i];
      }
      for (auto q = p + 1; q != layout.end(); ++q) {
        const auto* o = q->control;
        EXPECT_TRUE(!o->Visible() || c->Left() + c->Width() < o->Left() + near ||
                    o->Left() + o->Width() < c->Left() + near ||
                    c->Top() + c->Height() < o->Top() + near ||
                    o->Top() + o->Height() < c->Top() + near)
            << "overlaps " << name(o);
      }
    }
  }
  for (const double size : {100.0, 0.0}) {
    resize(size, size);
    for (const auto& p : layout) EXPECT_TRUE(p.control->Width() >= 0 && p.control->Height() >= 0);
  }
}

}  // namespace sigpatch::fakes
