#pragma once

#include <cstdint>
#include <string>

namespace sigpatch::toolkit {

/// How a line is designed: its end points in twips of the form, its colour
/// (0x00BBGGRR), its width in pixels, and whether it is drawn inside its
/// bounds (the system's "inside solid").
struct LineDesign {
  std::u16string Name;
  double X1 = 0;
  double Y1 = 0;
  double X2 = 0;
  double Y2 = 0;
  std::int32_t BorderColor = 0;
  std::int32_t BorderWidth = 1;
  bool InsideSolid = false;
  bool Visible = true;
};

/// A straight line on a form.
class Line {
 public:
  virtual ~Line() = default;
  virtual const std::u16string& Name() const = 0;
  virtual double X1() const = 0;
  virtual double Y1() const = 0;
  virtual double X2() const = 0;
  virtual double Y2() const = 0;
  virtual void SetX1(double value) = 0;
  virtual void SetY1(double value) = 0;
  virtual void SetX2(double value) = 0;
  virtual void SetY2(double value) = 0;
  virtual std::int32_t BorderColor() const = 0;
  virtual std::int32_t BorderWidth() const = 0;
  virtual bool Visible() const = 0;
  virtual void SetVisible(bool value) = 0;
};

}  // namespace sigpatch::toolkit
