#include "support/kernel/testbed.hpp"

#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>
#include <umockdev.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace capcode::kernel {

namespace {

std::vector<gchar*> pairs(std::initializer_list<const char*> items) {
  std::vector<gchar*> list;
  for (const char* item : items)
    list.push_back(const_cast<gchar*>(item));
  list.push_back(nullptr);
  return list;
}

}  // namespace

std::string emulationProblem() {
  const char* preload = std::getenv("LD_PRELOAD");
  if (preload == nullptr || std::string(preload).find("libumockdev-preload") == std::string::npos)
    return "not started under umockdev's preload library (LD_PRELOAD=libumockdev-preload.so.0); "
           "run it through ctest";
  // A programmer box's node is a pseudo-terminal.
  int master = -1, slave = -1;
  if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
    return std::string("no pseudo-terminal for an emulated node: ") + std::strerror(errno);
  ::close(master);
  ::close(slave);
  return {};
}

Testbed::Testbed() : testbed_(umockdev_testbed_new()) {
  gchar* root = umockdev_testbed_get_root_dir(testbed_);
  root_ = root;
  g_free(root);
}

bool Testbed::redirects() const {
  // The real /sys always has /sys/kernel; the testbed's never does.
  struct stat info {};
  return ::stat("/sys/kernel", &info) != 0;
}

Testbed::~Testbed() {
  g_object_unref(testbed_);  // removes the root folder and stops the handlers' thread
}

std::string Testbed::addDevice(const std::string& subsystem, const std::string& name,
                               const std::string& parent,
                               std::initializer_list<const char*> attributes,
                               std::initializer_list<const char*> properties) {
  auto attributeList = pairs(attributes);
  auto propertyList = pairs(properties);
  gchar* path = umockdev_testbed_add_devicev(testbed_, subsystem.c_str(), name.c_str(),
                                             parent.empty() ? nullptr : parent.c_str(),
                                             attributeList.data(), propertyList.data());
  if (path == nullptr) throw std::runtime_error("the testbed refused the device " + name);
  std::string device = path;
  g_free(path);
  return device;
}

void Testbed::setBinaryAttribute(const std::string& device, const std::string& name,
                                 const unsigned char* bytes, int length) {
  umockdev_testbed_set_attribute_binary(testbed_, device.c_str(), name.c_str(),
                                        const_cast<guint8*>(bytes), length);
}

void Testbed::setLink(const std::string& device, const std::string& name,
                      const std::string& target) {
  umockdev_testbed_set_attribute_link(testbed_, device.c_str(), name.c_str(), target.c_str());
}

void Testbed::uevent(const std::string& device, const char* action) {
  umockdev_testbed_uevent(testbed_, device.c_str(), action);
}

void Testbed::removeDevice(const std::string& device) {
  umockdev_testbed_remove_device(testbed_, device.c_str());
  // The links to it from the class, bus and dev folders stay behind: take them away too, so
  // that a device plugged in later can take the same names.
  std::error_code ignored;
  for (const char* folder : {"/sys/class", "/sys/bus", "/sys/dev"}) {
    const std::filesystem::path top = root_ + folder;
    for (auto it = std::filesystem::recursive_directory_iterator(top, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
      if (it->is_symlink(ignored) && !std::filesystem::exists(it->path(), ignored))
        std::filesystem::remove(it->path(), ignored);
    }
  }
}

void Testbed::attach(const std::string& node, UMockdevIoctlBase* handler) {
  GError* error = nullptr;
  if (!umockdev_testbed_attach_ioctl(testbed_, ("/dev/" + node).c_str(), handler, &error)) {
    const std::string why = error != nullptr ? error->message : "unknown";
    g_clear_error(&error);
    throw std::runtime_error("cannot attach a handler to /dev/" + node + ": " + why);
  }
}

}  // namespace capcode::kernel

namespace capcode::kernel {

void Testbed::detach(const std::string& node) {
  GError* error = nullptr;
  umockdev_testbed_detach_ioctl(testbed_, ("/dev/" + node).c_str(), &error);
  g_clear_error(&error);
}

bool ioctlPointee(UMockdevIoctlClient* client, void* in, const void* out, std::size_t length) {
  GError* error = nullptr;
  UMockdevIoctlData* target =
      umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, length, &error);
  if (target == nullptr) {
    g_clear_error(&error);
    return false;
  }
  if (in != nullptr) std::memcpy(in, target->data, length);
  if (out != nullptr) {
    umockdev_ioctl_data_update(target, 0, static_cast<guint8*>(const_cast<void*>(out)),
                               static_cast<gint>(length));
  }
  umockdev_ioctl_data_unref(target);
  return true;
}

}  // namespace capcode::kernel
