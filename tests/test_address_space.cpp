// The 32-bit program's address space: a picture that would fit in memory but
// not in what is left of a crowded 32-bit process is refused with "Can't
// allocate memory", a turn or an undo copy that does not fit leaves the
// picture as it was, and once room is back the same picture loads. The crowd
// is made by reserving address space (no memory is used), so the test costs
// nothing natively and only runs in the 32-bit build.
#include "support.h"

#if defined(_WIN32) && !defined(_WIN64)

#include <windows.h>

#include "core/messages.h"
#include "formats/load.h"
#include "ops/geometry.h"

using namespace lgtest;

namespace {

// Reserves every block of the address space it can get, then hands back one
// of 64 MB: room for the small allocations of a load, not for the picture.
class CrowdedAddressSpace {
public:
    CrowdedAddressSpace() {
        for (size_t chunk : {size_t(64) << 20, size_t(1) << 20, size_t(64) << 10})
            while (void* p = VirtualAlloc(nullptr, chunk, MEM_RESERVE, PAGE_NOACCESS)) blocks_.push_back(p);
        if (!blocks_.empty()) {
            VirtualFree(blocks_.front(), 0, MEM_RELEASE);  // one of the 64 MB blocks
            blocks_.erase(blocks_.begin());
        }
    }
    ~CrowdedAddressSpace() {
        for (void* p : blocks_) VirtualFree(p, 0, MEM_RELEASE);
    }
    // The largest block the process could still get, in bytes.
    static size_t LargestFree() {
        size_t best = 0;
        MEMORY_BASIC_INFORMATION mbi;
        for (uintptr_t a = 0x10000; VirtualQuery(reinterpret_cast<void*>(a), &mbi, sizeof mbi); ) {
            if (mbi.State == MEM_FREE && mbi.RegionSize > best) best = mbi.RegionSize;
            const uintptr_t next = uintptr_t(mbi.BaseAddress) + mbi.RegionSize;
            if (next <= a) break;
            a = next;
        }
        return best;
    }

private:
    std::vector<void*> blocks_;
};

uint64_t Sum(const lg::Image& img) {
    uint64_t s = 0;
    for (size_t i = 0; i < img.pixelBytes(); ++i) s = s * 31 + img.pixels()[i];
    return s;
}

}  // namespace

TEST(AddressSpace, APictureThatDoesNotFitIsRefusedAndTheProgramGoesOn) {
    const std::string large = DataPath("large_flat.png");  // 8000 x 5000 x 24 bits: 120 MB
    const std::string small = DataPath("big24.bmp");
    lg::ReadOptions opt;
    lg::Status st;

    // A picture of 24 MB loaded while there is room, to be turned later.
    lg::Image kept = lg::Image::Create(3001, 2777, 24, 0);
    ASSERT_TRUE(kept);
    for (size_t i = 0; i < kept.pixelBytes(); ++i) kept.pixels()[i] = uint8_t(i * 7 + (i >> 12));
    const uint64_t keptSum = Sum(kept);
    {
        CrowdedAddressSpace crowd;
        const size_t room = CrowdedAddressSpace::LargestFree();
        ASSERT_LT(room, size_t(100) << 20) << "the address space could not be crowded";
        ASSERT_GT(room, size_t(16) << 20);

        lg::Image img = lg::LoadQuiet(large, opt, st);
        EXPECT_FALSE(img);
        EXPECT_EQ(st.error, lg::Msg(lg::MsgId::CantAllocate));

        // Still usable: a small picture loads in what is left.
        lg::Status st2;
        lg::Image little = lg::LoadQuiet(small, opt, st2);
        EXPECT_TRUE(little) << st2.error;

        // A turn and an undo copy that do not fit give nothing and change nothing.
        std::vector<void*> more;  // take the room the turn would need
        while (void* p = VirtualAlloc(nullptr, size_t(4) << 20, MEM_RESERVE, PAGE_NOACCESS)) more.push_back(p);
        EXPECT_FALSE(lg::RotateRight(kept));
        EXPECT_FALSE(kept.Duplicate());
        EXPECT_EQ(Sum(kept), keptSum);
        for (void* p : more) VirtualFree(p, 0, MEM_RELEASE);
    }
    // With the room back, the same file loads, every pixel the grey netpbm made.
    lg::Status st3;
    lg::Image img = lg::LoadQuiet(large, opt, st3);
    ASSERT_TRUE(img) << st3.error;
    EXPECT_EQ(img.width(), 8000);
    EXPECT_EQ(img.height(), 5000);
    EXPECT_EQ(img.bitCount(), 24);
    bool allGrey = true;
    for (size_t i = 0; i < img.pixelBytes() && allGrey; i += 4099) allGrey = img.pixels()[i] == 0x80;
    EXPECT_TRUE(allGrey);
    EXPECT_TRUE(lg::RotateRight(kept));
}

#endif
