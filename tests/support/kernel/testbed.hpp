#pragma once
// A private /sys and /dev for the programs under test: umockdev's testbed. The programs see it
// through umockdev's preload library (LD_PRELOAD=libumockdev-preload.so.0 and UMOCKDEV_DIR, the
// testbed's root, in their environment); this process must run under the preload too, so that
// the uevents it sends reach their udev monitors. ioctl(), read() and write() on an emulated
// node are handed to the handler attached to it, which runs on the testbed's own thread.
// One testbed per process at a time; it removes its root folder when it goes.

#include <cstddef>
#include <string>

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;

namespace capcode::kernel {

// Why the emulated kernel cannot run in this process, or empty when it can.
std::string emulationProblem();

// The `length` bytes an ioctl's pointer argument names in the calling program: copied into `in`
// (when given), then overwritten with `out` (when given). False when the pointer names nothing
// that program may touch (the ioctl then fails with EFAULT).
bool ioctlPointee(UMockdevIoctlClient* client, void* in, const void* out, std::size_t length);

class Testbed {
 public:
  Testbed();
  ~Testbed();
  Testbed(const Testbed&) = delete;
  Testbed& operator=(const Testbed&) = delete;

  UMockdevTestbed* raw() const { return testbed_; }
  // Whether this process sees the testbed's /sys instead of the real one.
  bool redirects() const;
  // The testbed's root folder (what UMOCKDEV_DIR names).
  const std::string& root() const { return root_; }

  // Adds a device under /sys/devices/`name` (`parent`: a path returned before, or empty) with
  // its sysfs attributes and udev properties as name, value pairs; returns its /sys path.
  std::string addDevice(const std::string& subsystem, const std::string& name,
                        const std::string& parent,
                        std::initializer_list<const char*> attributes,
                        std::initializer_list<const char*> properties);
  void setBinaryAttribute(const std::string& device, const std::string& name,
                          const unsigned char* bytes, int length);
  void setLink(const std::string& device, const std::string& name, const std::string& target);
  // Sends the device's uevent ("add", "remove") to every udev monitor of the programs.
  void uevent(const std::string& device, const char* action);
  void removeDevice(const std::string& device);
  // Hands ioctl(), read() and write() on /dev/`node` to `handler` (the testbed keeps a reference).
  void attach(const std::string& node, UMockdevIoctlBase* handler);
  // Lets go of the handler again (the node may be given another).
  void detach(const std::string& node);

 private:
  UMockdevTestbed* testbed_ = nullptr;
  std::string root_;
};

}  // namespace capcode::kernel
