// The skin's menu file reader on arbitrary file contents, and on the input read as one menu file
// element per byte, since the element names are compared inside Qt, out of the fuzzer's sight.
#include "ui/skin_menu_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static constexpr const char* kElements[] = {
      "<menu text='m'>", "</menu>",        "<item name='i' text='t'/>",
      "<separator/>",    "<x><menu/></x>", "&bad;"};
  QByteArray elements;
  for (std::size_t i = 0; i < size; ++i) elements += kElements[data[i] % std::size(kElements)];
  melko::ui::ParseMenu(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
  melko::ui::CountItems(melko::ui::ParseMenu(elements));
  return 0;
}
