#pragma once

#include <algorithm>
#include <string_view>
#include <vector>

namespace sigpatch::toolkit {

/// The windows a toolkit has made, oldest first: what every toolkit keeps of
/// its forms, for any window class `Form` with Design() and IsVisible().
template <typename Form>
class FormList {
 public:
  /// The windows that exist, oldest first.
  const std::vector<Form*>& Forms() const { return forms_; }
  /// The newest window of that name, or nullptr.
  Form* FindForm(std::u16string_view name) const {
    for (auto it = forms_.rbegin(); it != forms_.rend(); ++it) {
      if ((*it)->Design().Name == name) return *it;
    }
    return nullptr;
  }
  void Register(Form& form) { forms_.push_back(&form); }
  void Unregister(const Form& form) { std::erase(forms_, &form); }
  /// Whether one of the windows is visible.
  bool AnyVisible() const {
    return std::any_of(forms_.begin(), forms_.end(), [](const Form* form) { return form->IsVisible(); });
  }

 private:
  std::vector<Form*> forms_;
};

}  // namespace sigpatch::toolkit
