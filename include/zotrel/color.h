/// @file
/// Zotrel colours: four float channels with alpha, and their packed 32-bit forms.
///
/// A `CZtColor` holds one `ZTCOLORVALUE`: red, green, blue and alpha as
/// single-precision channels, normally 0.0..1.0 (alpha 1.0 is opaque, 0.0
/// fully transparent). It converts to and from two packed forms, one byte per
/// channel and no premultiplication in either direction:
///
///  - ARGB, 0xAARRGGBB; `sc_redMask`/`sc_redShift` and the green and blue
///    constants describe its colour bytes;
///  - BGRA (the "PBGRA" members): blue in bits 24..31, green in 16..23, red
///    in 8..15, alpha in 0..7.
///
/// Unpacking: a byte becomes the channel `byte * 0.00392156862745098` (1/255,
/// in double precision) rounded to float. Packing: a channel becomes the byte
/// `channel * 255` (in single precision) truncated toward zero. Every byte
/// value converts to a channel and back to itself. The channels themselves are
/// never checked, but packing keeps every channel inside its own byte: a
/// channel whose byte would be 255 or more (1.0 and above, +infinity) packs
/// as 255, one whose byte would be below 0 (negative channels, -infinity) or
/// that is NaN packs as 0.
///
///     Varn::CZtColor red(0x80FF0000u);           // half-transparent red
///     unsigned int argb = red.GetARGBValue();    // 0x80FF0000
///     unsigned int bgra = red.GetPBGRAValue();   // 0x0000FF80
///     red.SetTransparency(0.5f);                 // alpha halved
///     Varn::CZtColor mix = Varn::CZtColor::BlendColors(red, Varn::CZtColor(0xFF0000FFu), 0.25f);
///
/// The transparency operations multiply the alpha: applying
/// `SetTransparency(0.5f)` twice leaves a quarter of the starting alpha.
///
/// Ownership: a colour holds no resources. A `CZtColor` has a virtual
/// destructor, so an object is larger than its `ZTCOLORVALUE`; read the
/// record through `operator const ZTCOLORVALUE&`. Threads: no shared state;
/// an object is a value used by one thread at a time.
///
/// The record also compiles as C11.

#ifndef ZOTREL_COLOR_H
#define ZOTREL_COLOR_H

#include <zotrel/foundation.h>

ZOTREL_NAMESPACE_BEGIN

/// The channels of a colour: 16 bytes, each channel normally 0.0..1.0.
typedef struct ZTCOLORVALUE {
    float r;  ///< Red.
    float g;  ///< Green.
    float b;  ///< Blue.
    float a;  ///< Alpha: 1.0 opaque, 0.0 fully transparent.
} ZTCOLORVALUE;

ZOTREL_NAMESPACE_END

#ifdef __cplusplus

namespace Varn {

/// A colour with alpha, kept as a `ZTCOLORVALUE`; see the top of this header
/// for the packed forms and how channels and bytes convert.
class ZOTREL_EXPORT CZtColor {
public:
    // The colour bytes of the ARGB form 0xAARRGGBB.
    static const unsigned int sc_redMask = 0x00FF0000u;    ///< Red byte of the ARGB form.
    static const unsigned int sc_redShift = 16;            ///< Bit position of the red byte.
    static const unsigned int sc_greenMask = 0x0000FF00u;  ///< Green byte of the ARGB form.
    static const unsigned int sc_greenShift = 8;           ///< Bit position of the green byte.
    static const unsigned int sc_blueMask = 0x000000FFu;   ///< Blue byte of the ARGB form.
    static const unsigned int sc_blueShift = 0;            ///< Bit position of the blue byte.

    // Construction ---------------------------------------------------------

    /// The ARGB value 0x00FFFFFF: white with alpha 0.0 (fully transparent).
    CZtColor();
    /// The four channels of an ARGB value 0xAARRGGBB, alpha from its top byte.
    CZtColor(unsigned int argb);
    /// Red, green and blue from the low three bytes of `rgb`, alpha as given
    /// (unchecked); the top byte is ignored.
    CZtColor(unsigned int rgb, float alpha);
    /// The channels as given (unchecked), alpha first.
    CZtColor(float a, float r, float g, float b);
    /// A copy of the four channels.
    CZtColor(const CZtColor& other);
    /// Nothing to free.
    virtual ~CZtColor();

    /// Copies the four channels; returns this colour.
    CZtColor& operator=(const CZtColor& other);
    /// All four channels from an ARGB value, as `CZtColor(unsigned int)`; the
    /// assignment returns this colour.
    ///@{
    CZtColor& operator=(const unsigned int& argb);
    void SetFromARGBValue(const unsigned int& argb);
    ///@}
    /// The packed 0xAARRGGBB value, each channel packed into its own byte.
    unsigned int GetARGBValue() const;
    /// All four channels from a BGRA value (blue in the top byte, alpha in the
    /// lowest); `GetPBGRAValue` then gives `bgra` back.
    void SetFromPBGRAValue(const unsigned int& bgra);
    /// The packed BGRA value: blue in the top byte, alpha in the lowest, each
    /// channel packed into its own byte. The colour bytes are not multiplied
    /// by alpha.
    unsigned int GetPBGRAValue() const;

    // Channels -------------------------------------------------------------

    /// One channel (alpha, red, green or blue) as stored.
    ///@{
    float GetA() const;
    float GetR() const;
    float GetG() const;
    float GetB() const;
    ///@}
    /// Stores one channel (alpha, red, green or blue) as given, unchecked.
    ///@{
    void SetA(float a);
    void SetR(float r);
    void SetG(float g);
    void SetB(float b);
    ///@}

    /// The stored channels, by reference into this colour (valid while it
    /// lives).
    operator const ZTCOLORVALUE&() const;

    /// Fills `out` as `CZtColor(rgb, alpha)` does: red, green and blue from
    /// the low three bytes of `rgb`, alpha as given.
    static void Init(unsigned int rgb, float alpha, ZTCOLORVALUE& out);

    // Transparency and blending --------------------------------------------

    /// alpha = alpha * `factor` (unchecked).
    void SetTransparentAlpha(float factor);
    /// alpha = alpha * `value` / 255, in single precision.
    void SetTransparentAlpha(unsigned char value);
    /// alpha = alpha * (1 - `transparency`) (unchecked).
    void SetTransparency(float transparency);
    /// alpha = alpha * (255 - `transparency`) / 255, in single precision.
    void SetTransparency(unsigned char transparency);
    /// Makes the colour `percent` percent more transparent: alpha = alpha *
    /// (1 - percent * 2.55f * 0.00392156862745098), computed in double
    /// precision (the last factor is 1/255). With the
    /// float constant 2.55f, 100 leaves a tiny alpha (below 1e-7) that is not
    /// exactly 0; above 100 the alpha turns negative (and packs as 0).
    void SetTransparencyPercent(unsigned char percent);
    /// True when alpha is not exactly 1.0 (a NaN alpha or one above 1.0
    /// counts as transparent).
    bool HasTransparency() const;

    /// A new colour: each channel (alpha too) = t * c2 + (1 - t) * c1 in
    /// single precision, with 1 - t rounded to float first: `t` 0 gives c1,
    /// 1 gives c2. `t` is not checked, so values outside 0..1 extrapolate.
    static CZtColor BlendColors(const CZtColor& c1, const CZtColor& c2, const float& t);
    /// This colour becomes the blend of itself (as c1) and `c2`, as the static
    /// form computes it; returns this colour.
    const CZtColor& BlendColors(const CZtColor& c2, const float& t);

private:
    void Init(unsigned int rgb, float alpha);
    void MakeDeepCopy(const CZtColor& other);
    void MakeDeepCopy(const unsigned int& argb);
    void MakeDeepCopy(float a, float r, float g, float b);
    void CleanUp();

    ZTCOLORVALUE m_color;
};

}  // namespace Varn

#endif /* __cplusplus */

#endif /* ZOTREL_COLOR_H */
