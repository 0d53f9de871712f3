/// @file
/// Zotrel geometry: points, sizes and rectangles in float coordinates, with integer companions.
///
/// Three plain records of 32-bit floats carry two-dimensional graphics
/// coordinates (`ZT_POINT_2F`, `ZT_SIZE_F`, `ZT_RECT_F`), and three records of
/// unsigned 32-bit integers carry the same for callers that work in whole
/// pixels (`ZT_POINT_2U`, `ZT_SIZE_U`, `ZT_RECT_U`). The value classes
/// `CZtPoint`, `CZtSize` and `CZtRect` derive publicly from the float records,
/// so their fields are the record's fields and an object binds to a reference
/// or a pointer of its record wherever one is expected. They keep floats and
/// convert to and from the integer records on request. All arithmetic is
/// single precision, field by field.
///
/// An object is not its record byte for byte: the classes have virtual
/// destructors, so an object carries a virtual-table pointer beside the fields
/// and is larger than its record. Let the compiler convert (implicitly or with
/// `static_cast`); never `memcpy` an object, `reinterpret_cast` its address or
/// pass an array of objects as an array of records.
///
/// A rectangle is given by two corners, not by an origin and an extent:
/// `left`/`top` is the start corner, `right`/`bottom` the end corner, and the
/// width and height are the absolute differences. A rectangle is half-open:
/// its start edges belong to it, its end edges do not.
///
///     Varn::CZtRect frame(10, 20, 30, 60);      // width 20, height 40
///     bool in = frame.Contains(10, 20);         // true: start edges belong
///     bool out = frame.Contains(30, 20);        // false: end edges do not
///     Varn::ZT_RECT_U pixels = frame;           // (10, 20, 30, 60)
///
/// Conversions between the records:
///  - integer to float: the exact unsigned value rounded to the nearest float
///    (4294967295 becomes 4294967296.0f);
///  - float to integer: truncated toward zero and reduced modulo 2^32, which
///    is the low 32 bits of the 64-bit truncation (-1.0 becomes 0xFFFFFFFF,
///    3.9 becomes 3, -3.9 becomes 0xFFFFFFFD, 2^32 + 512 becomes 512). Every
///    finite float of magnitude 2^55 or more is a multiple of 2^32 and
///    converts to 0; the infinities convert to 0 like their finite
///    neighbours, and NaN converts to 0.
///
/// Ownership: the objects hold no resources. `CZtRect::Clone` allocates with
/// the global `new`; the caller deletes the copy.
///
/// Threads: no shared state. An object is a value used by one thread at a
/// time.
///
/// Members that take a pointer treat a null pointer as documented per member:
/// a constructor then gives the zero value and an assignment changes nothing.
/// The pointer constructors are implicit, so a bare `nullptr` (or `0`) matches
/// several of them and does not compile: write
/// `CZtSize(static_cast<const ZT_SIZE_F*>(nullptr))`.
///
/// The records also compile as C11.

#ifndef ZOTREL_GEOMETRY_H
#define ZOTREL_GEOMETRY_H

#include <zotrel/foundation.h>

ZOTREL_NAMESPACE_BEGIN

/// A point in float coordinates: 8 bytes.
typedef struct ZT_POINT_2F {
    float x;  ///< Horizontal coordinate.
    float y;  ///< Vertical coordinate.
} ZT_POINT_2F;

/// A size in float coordinates: 8 bytes. Also carries an end corner where a
/// member says so (`CZtRect(start, end)`, `CZtRect::GetEndLocationSize`).
typedef struct ZT_SIZE_F {
    float width;   ///< Horizontal extent, or the end corner's x.
    float height;  ///< Vertical extent, or the end corner's y.
} ZT_SIZE_F;

/// A rectangle by its two corners in float coordinates: 16 bytes.
typedef struct ZT_RECT_F {
    float left;    ///< Start corner, x: the edge that belongs to the rectangle.
    float top;     ///< Start corner, y: the edge that belongs to the rectangle.
    float right;   ///< End corner, x: the edge just outside the rectangle.
    float bottom;  ///< End corner, y: the edge just outside the rectangle.
} ZT_RECT_F;

/// A point in whole pixels: 8 bytes.
typedef struct ZT_POINT_2U {
    unsigned int x;  ///< Horizontal coordinate.
    unsigned int y;  ///< Vertical coordinate.
} ZT_POINT_2U;

/// A size in whole pixels: 8 bytes. Also carries an end corner where a member
/// says so (`CZtRect(start, end)`).
typedef struct ZT_SIZE_U {
    unsigned int width;   ///< Horizontal extent, or the end corner's x.
    unsigned int height;  ///< Vertical extent, or the end corner's y.
} ZT_SIZE_U;

/// A rectangle in whole pixels by its two corners: 16 bytes.
typedef struct ZT_RECT_U {
    unsigned int left;    ///< Start corner, x.
    unsigned int top;     ///< Start corner, y.
    unsigned int right;   ///< End corner, x.
    unsigned int bottom;  ///< End corner, y.
} ZT_RECT_U;

ZOTREL_NAMESPACE_END

#ifdef __cplusplus

namespace Varn {

/// A point in float coordinates: `x` and `y` are the fields of its record
/// `ZT_POINT_2F`. Integer points are converted as the header comment says.
class ZOTREL_EXPORT CZtPoint : public ZT_POINT_2F {
public:
    // Construction ---------------------------------------------------------

    /// (0, 0).
    CZtPoint();
    /// (`x`, `y`).
    CZtPoint(float x, float y);
    /// A copy of the coordinates.
    CZtPoint(const CZtPoint& other);
    /// A copy of `*other`; (0, 0) for null.
    CZtPoint(const CZtPoint* other);
    /// A copy of the record's coordinates.
    CZtPoint(const ZT_POINT_2F& other);
    /// A copy of `*other`; (0, 0) for null.
    CZtPoint(const ZT_POINT_2F* other);
    /// The integer point converted to float.
    CZtPoint(const ZT_POINT_2U& other);
    /// The integer point converted to float; (0, 0) for null.
    CZtPoint(const ZT_POINT_2U* other);
    /// Nothing to free.
    virtual ~CZtPoint();

    /// Copies the coordinates; assigning a point to itself changes nothing.
    /// Returns this point.
    CZtPoint& operator=(const CZtPoint& other);
    /// Copies `*other`; null and this point itself change nothing. Returns
    /// this point.
    CZtPoint& operator=(const CZtPoint* other);
    /// Copies the record's coordinates. Returns this point.
    CZtPoint& operator=(const ZT_POINT_2F& other);
    /// Copies `*other`; null changes nothing. Returns this point.
    CZtPoint& operator=(const ZT_POINT_2F* other);
    /// The integer point converted to float. Returns this point.
    CZtPoint& operator=(const ZT_POINT_2U& other);
    /// The integer point converted to float; null changes nothing. Returns
    /// this point.
    CZtPoint& operator=(const ZT_POINT_2U* other);

    /// Copies the coordinates of `other` (an integer point converted to
    /// float), as the assignments do.
    ///@{
    void SetPoint(const CZtPoint& other);
    void SetPoint(const ZT_POINT_2F& other);
    void SetPoint(const ZT_POINT_2U& other);
    ///@}

    /// Writes x and y into `out` (converted to whole pixels for the integer
    /// record).
    ///@{
    void GetPoint(CZtPoint& out) const;
    void GetPoint(ZT_POINT_2F& out) const;
    void GetPoint(ZT_POINT_2U& out) const;
    ///@}
    /// The point converted to whole pixels, as `GetPoint(ZT_POINT_2U&)`.
    operator ZT_POINT_2U() const;

    /// The coordinate `x` or `y`.
    ///@{
    float GetX() const;
    float GetY() const;
    ///@}

    // Arithmetic -----------------------------------------------------------

    /// A new point: the coordinate-wise sum or difference (an integer point
    /// is converted to float first). This point is unchanged.
    ///@{
    CZtPoint operator+(const CZtPoint& other) const;
    CZtPoint operator+(const ZT_POINT_2F& other) const;
    CZtPoint operator+(const ZT_POINT_2U& other) const;
    CZtPoint operator-(const CZtPoint& other) const;
    CZtPoint operator-(const ZT_POINT_2F& other) const;
    CZtPoint operator-(const ZT_POINT_2U& other) const;
    ///@}
    /// Adds `other` to, or subtracts it from, this point coordinate by
    /// coordinate (an integer point is converted to float first). Returns this
    /// point.
    ///@{
    CZtPoint& operator+=(const CZtPoint& other);
    CZtPoint& operator+=(const ZT_POINT_2F& other);
    CZtPoint& operator+=(const ZT_POINT_2U& other);
    CZtPoint& operator-=(const CZtPoint& other);
    CZtPoint& operator-=(const ZT_POINT_2F& other);
    CZtPoint& operator-=(const ZT_POINT_2U& other);
    ///@}
    /// A new point (x * `factor`, y * `factor`). This point is unchanged.
    CZtPoint operator*(const float& factor) const;

    /// Adds `dx` to x and `dy` to y.
    void Offset(float dx, float dy);
    /// Adds `delta.x` to x and `delta.y` to y.
    void Offset(const CZtPoint& delta);

    // Comparison -----------------------------------------------------------

    /// True when both coordinates are equal as floats (so a NaN coordinate
    /// equals nothing). An integer point is converted to float first, so the
    /// comparison is made after rounding: (4294967295, 0) equals the point
    /// (4294967296.0f, 0).
    ///@{
    bool Equals(const CZtPoint& other) const;
    bool Equals(const ZT_POINT_2F& other) const;
    bool Equals(const ZT_POINT_2U& other) const;
    bool operator==(const CZtPoint& other) const;
    bool operator==(const ZT_POINT_2F& other) const;
    bool operator==(const ZT_POINT_2U& other) const;
    ///@}

private:
    void Init(float x, float y);
    void MakeDeepCopy(const CZtPoint& other);
    void MakeDeepCopy(const ZT_POINT_2F& other);
    void MakeDeepCopy(const ZT_POINT_2U& other);
    void CleanUp();
};

/// A size (width and height) in float coordinates: `width` and `height` are
/// the fields of its record `ZT_SIZE_F`. The fields are signed; nothing makes
/// them positive. Integer sizes are converted as the header comment says.
class ZOTREL_EXPORT CZtSize : public ZT_SIZE_F {
public:
    // Construction ---------------------------------------------------------

    /// (0, 0).
    CZtSize();
    /// (`width`, `height`).
    CZtSize(float width, float height);
    /// A copy of both fields.
    CZtSize(const CZtSize& other);
    /// A copy of `*other`; (0, 0) for null.
    CZtSize(const CZtSize* other);
    /// A copy of the record's fields.
    CZtSize(const ZT_SIZE_F& other);
    /// A copy of `*other`; (0, 0) for null.
    CZtSize(const ZT_SIZE_F* other);
    /// The integer size converted to float.
    CZtSize(const ZT_SIZE_U& other);
    /// The integer size converted to float; (0, 0) for null.
    CZtSize(const ZT_SIZE_U* other);
    /// width = right - left, height = bottom - top: signed, so a rectangle
    /// with crossed corners gives a negative field (unlike
    /// `CZtRect::GetSize`, which gives the absolute differences). A `CZtRect`
    /// argument takes this constructor.
    CZtSize(const ZT_RECT_F& rect);
    /// As above; (0, 0) for null.
    CZtSize(const ZT_RECT_F* rect);
    /// width = right - left, height = bottom - top in unsigned 32-bit
    /// arithmetic, then converted to float: an end edge before its start edge
    /// wraps around (right 5, left 10 gives 4294967291, read as 4294967296.0f).
    CZtSize(const ZT_RECT_U& rect);
    /// As above; (0, 0) for null.
    CZtSize(const ZT_RECT_U* rect);
    /// Nothing to free.
    virtual ~CZtSize();

    /// As the matching constructor; returns this size. The pointer forms
    /// change nothing for null, and `operator=(const CZtSize*)` nothing for
    /// this size itself either.
    ///@{
    CZtSize& operator=(const CZtSize& other);
    CZtSize& operator=(const CZtSize* other);
    CZtSize& operator=(const ZT_SIZE_F& other);
    CZtSize& operator=(const ZT_SIZE_F* other);
    CZtSize& operator=(const ZT_SIZE_U& other);
    CZtSize& operator=(const ZT_SIZE_U* other);
    CZtSize& operator=(const ZT_RECT_F& rect);
    CZtSize& operator=(const ZT_RECT_F* rect);
    CZtSize& operator=(const ZT_RECT_U& rect);
    CZtSize& operator=(const ZT_RECT_U* rect);
    ///@}

    /// Copies both fields of `other` (an integer size converted to float), as
    /// the assignments do.
    ///@{
    void SetSize(const ZT_SIZE_F& other);
    void SetSize(const ZT_SIZE_U& other);
    ///@}
    /// Writes width and height into `out` (converted to whole pixels for the
    /// integer record).
    ///@{
    void GetSize(ZT_SIZE_F& out) const;
    void GetSize(ZT_SIZE_U& out) const;
    ///@}
    /// The size converted to whole pixels, as `GetSize(ZT_SIZE_U&)`.
    operator ZT_SIZE_U() const;

    /// The field `width` or `height`.
    ///@{
    float GetWidth() const;
    float GetHeight() const;
    ///@}

    // Arithmetic -----------------------------------------------------------

    /// A new size: the field-wise sum or difference (an integer size is
    /// converted to float first). This size is unchanged.
    ///@{
    CZtSize operator+(const CZtSize& other) const;
    CZtSize operator+(const ZT_SIZE_F& other) const;
    CZtSize operator+(const ZT_SIZE_U& other) const;
    CZtSize operator-(const CZtSize& other) const;
    CZtSize operator-(const ZT_SIZE_F& other) const;
    CZtSize operator-(const ZT_SIZE_U& other) const;
    ///@}
    /// Adds `other` to, or subtracts it from, this size field by field (an
    /// integer size is converted to float first). Returns this size.
    ///@{
    CZtSize& operator+=(const CZtSize& other);
    CZtSize& operator+=(const ZT_SIZE_F& other);
    CZtSize& operator+=(const ZT_SIZE_U& other);
    CZtSize& operator-=(const CZtSize& other);
    CZtSize& operator-=(const ZT_SIZE_F& other);
    CZtSize& operator-=(const ZT_SIZE_U& other);
    ///@}

    // Comparison -----------------------------------------------------------

    /// True when both fields are equal as floats (so a NaN field equals
    /// nothing). An integer size is converted to float first, so the
    /// comparison is made after rounding.
    ///@{
    bool Equals(const CZtSize& other) const;
    bool Equals(const ZT_SIZE_F& other) const;
    bool Equals(const ZT_SIZE_U& other) const;
    bool operator==(const CZtSize& other) const;
    bool operator==(const ZT_SIZE_F& other) const;
    bool operator==(const ZT_SIZE_U& other) const;
    ///@}

    /// Both fields times `factor`.
    void Multiply(float factor);
    /// (0, 0).
    void Reset();
    /// True when width and height are both 0 (-0 counts as 0, NaN does not).
    bool Empty() const;

private:
    void Init(float width, float height);
    void MakeDeepCopy(const CZtSize& other);
    void MakeDeepCopy(const ZT_SIZE_F& other);
    void MakeDeepCopy(const ZT_SIZE_U& other);
    void MakeDeepCopy(const ZT_RECT_F& rect);
    void MakeDeepCopy(const ZT_RECT_U& rect);
    void CleanUp();
};

/// A rectangle by its start corner (`left`, `top`) and its end corner
/// (`right`, `bottom`), the fields of its record `ZT_RECT_F`. Nothing
/// normalises the corners unless `NormalizeRect` is called; widths and
/// heights are absolute differences. The start edges belong to the
/// rectangle, the end edges do not.
class ZOTREL_EXPORT CZtRect : public ZT_RECT_F {
public:
    // Construction ---------------------------------------------------------

    /// (0, 0, 0, 0).
    CZtRect();
    /// The four edges in argument order, not normalised.
    CZtRect(float left, float top, float right, float bottom);
    /// A copy of the four edges.
    CZtRect(const CZtRect& other);
    /// A copy of `*other`; (0, 0, 0, 0) for null.
    CZtRect(const CZtRect* other);
    /// A copy of the record's four edges.
    CZtRect(const ZT_RECT_F& other);
    /// A copy of `*other`; (0, 0, 0, 0) for null.
    CZtRect(const ZT_RECT_F* other);
    /// The integer rectangle converted to float.
    CZtRect(const ZT_RECT_U& other);
    /// The integer rectangle converted to float; (0, 0, 0, 0) for null.
    CZtRect(const ZT_RECT_U* other);
    /// (start.x, start.y, end.width, end.height): the size record carries
    /// the end corner, not an extent. Integer records are converted to float.
    ///@{
    CZtRect(const ZT_POINT_2F& start, const ZT_SIZE_F& end);
    CZtRect(const ZT_POINT_2U& start, const ZT_SIZE_U& end);
    ///@}
    /// As above; (0, 0, 0, 0) when either pointer is null.
    ///@{
    CZtRect(const ZT_POINT_2F* start, const ZT_SIZE_F* end);
    CZtRect(const ZT_POINT_2U* start, const ZT_SIZE_U* end);
    ///@}
    /// Nothing to free.
    virtual ~CZtRect();

    /// Copies the four edges (an integer rectangle converted to float);
    /// returns this rectangle. The pointer forms change nothing for null, and
    /// `operator=(const CZtRect*)` nothing for this rectangle itself either.
    ///@{
    CZtRect& operator=(const CZtRect& other);
    CZtRect& operator=(const CZtRect* other);
    CZtRect& operator=(const ZT_RECT_F& other);
    CZtRect& operator=(const ZT_RECT_F* other);
    CZtRect& operator=(const ZT_RECT_U& other);
    CZtRect& operator=(const ZT_RECT_U* other);
    ///@}
    /// (0, 0, width, height): the size becomes the end corner and the start
    /// corner the origin (an integer size converted to float); returns this
    /// rectangle. The pointer forms change nothing for null.
    ///@{
    CZtRect& operator=(const ZT_SIZE_F& size);
    CZtRect& operator=(const ZT_SIZE_F* size);
    CZtRect& operator=(const ZT_SIZE_U& size);
    CZtRect& operator=(const ZT_SIZE_U* size);
    ///@}
    /// Copies the four edges of `other` (an integer rectangle converted to
    /// float).
    ///@{
    void SetRect(const ZT_RECT_F& other);
    void SetRect(const ZT_RECT_U& other);
    ///@}

    /// Writes the four edges into `out` (converted to whole pixels for the
    /// integer record).
    ///@{
    void GetRect(ZT_RECT_F& out) const;
    void GetRect(ZT_RECT_U& out) const;
    ///@}
    /// The rectangle converted to whole pixels, as `GetRect(ZT_RECT_U&)`.
    operator ZT_RECT_U() const;

    /// A new rectangle with the same edges, from the global `new`; the caller
    /// deletes it.
    CZtRect* Clone() const;

    // Corners and extent ---------------------------------------------------

    /// `left` or `top`: the start corner.
    ///@{
    float GetX() const;
    float GetY() const;
    ///@}
    /// Sets `left` or `top`. Only the start edge moves: `right` and `bottom`
    /// stay, so the width or height changes.
    ///@{
    void SetX(float x);
    void SetY(float y);
    ///@}

    /// `|right - left|` or `|bottom - top|`: never negative, also for crossed
    /// corners.
    ///@{
    float GetWidth() const;
    float GetHeight() const;
    ///@}
    /// right = left + `width` or bottom = top + `height`: the end edge moves.
    /// A negative value crosses the corners.
    ///@{
    void SetWidth(float width);
    void SetHeight(float height);
    ///@}

    /// (left, top) into a point or a size.
    ///@{
    void GetLocation(CZtPoint& out) const;
    void GetLocationSize(CZtSize& out) const;
    ///@}
    /// (right, bottom) into a point or a size.
    ///@{
    void GetEndLocation(CZtPoint& out) const;
    void GetEndLocationSize(CZtSize& out) const;
    ///@}
    /// (`GetWidth()`, `GetHeight()`): the absolute width and height.
    void GetSize(CZtSize& out) const;
    /// (0, 0, `GetWidth()`, `GetHeight()`): the same extent at the origin.
    void GetLocationRect(CZtRect& out) const;
    /// A copy of the four edges.
    void GetBounds(CZtRect& out) const;

    /// (left, top).
    CZtPoint Origin() const;
    /// (width / 2, height / 2): the centre relative to the start corner.
    CZtPoint Center() const;
    /// (left + width / 2, top + height / 2) with the absolute width and
    /// height. For crossed corners that point lies outside the rectangle;
    /// call `NormalizeRect` first.
    CZtPoint CenterAbsolute() const;

    /// left -= dx, top -= dy, right += dx, bottom += dy.
    void Inflate(float dx, float dy);
    /// left += dx, top += dy, right -= dx, bottom -= dy.
    void Deflate(float dx, float dy);
    /// Adds `dx` to left and right and `dy` to top and bottom.
    void Offset(float dx, float dy);
    /// Adds `delta.x` to left and right and `delta.y` to top and bottom.
    void Offset(const CZtPoint& delta);

    /// (0, 0, 0, 0).
    void Empty();
    /// True when the width or the height is not above 2^-23 (the
    /// single-precision epsilon, 1.1920928955078125e-07); a NaN width or
    /// height counts as empty. Crossed corners do not make a rectangle empty:
    /// the width and height are absolute.
    bool IsEmptyArea() const;

    // Comparison and set operations ----------------------------------------

    /// True when all four edges are equal as floats (so a NaN edge equals
    /// nothing). Integer edges are converted to float first, so the
    /// comparison is made after rounding.
    ///@{
    bool Equals(const CZtRect& other) const;
    bool Equals(const ZT_RECT_F& other) const;
    bool Equals(const ZT_RECT_U& other) const;
    bool operator==(const CZtRect& other) const;
    bool operator==(const ZT_RECT_F& other) const;
    bool operator==(const ZT_RECT_U& other) const;
    ///@}

    /// left <= x < right and top <= y < bottom: the start edges belong to the
    /// rectangle, the end edges do not. False for a rectangle whose corners
    /// are crossed (see `NormalizeRect`) and for a NaN coordinate.
    ///@{
    bool Contains(float x, float y) const;
    bool Contains(const CZtPoint& point) const;
    ///@}
    /// r.left >= left, r.top >= top, r.right <= right, r.bottom <= bottom
    /// (all inclusive, so a rectangle contains itself).
    bool Contains(const CZtRect& r) const;
    /// True when the two rectangles really overlap: r.right > left,
    /// r.bottom > top, r.left < right and r.top < bottom (all strict, so
    /// rectangles that only touch do not intersect).
    bool IntersectsWith(const CZtRect& r) const;

    /// `out` = (max left, max top, min right, min bottom); returns
    /// `!out.IsEmptyArea()`. `out` may be `a` or `b`.
    ///
    /// This is no overlap test. For two disjoint rectangles the result has
    /// crossed corners (its left beyond its right, or its top beyond its
    /// bottom) whose absolute width and height are positive, so it returns
    /// true unless a dimension collapses to the epsilon. Existing callers rely
    /// on that result; use `IntersectsWith` to ask whether two rectangles
    /// overlap.
    static bool Intersect(const CZtRect& a, const CZtRect& b, CZtRect& out);
    /// `Intersect(*this, r, *this)`: this rectangle becomes the result, with
    /// the same caveat for disjoint rectangles.
    bool Intersect(const CZtRect& r);
    /// `out` = (min left, min top, max right, max bottom): the bounding
    /// rectangle of two rectangles with normal corners; returns
    /// `!out.IsEmptyArea()`. `out` may be `a` or `b`.
    static bool Union(const CZtRect& a, const CZtRect& b, CZtRect& out);

    /// Swaps top and bottom when bottom < top, and left and right when
    /// right < left, so that the start corner is the smaller one.
    void NormalizeRect();

private:
    void Init(float left, float top, float right, float bottom);
    void MakeDeepCopy(const CZtRect& other);
    void MakeDeepCopy(const ZT_RECT_F& other);
    void MakeDeepCopy(const ZT_RECT_U& other);
    void MakeDeepCopy(const ZT_POINT_2F& start, const ZT_SIZE_F& end);
    void MakeDeepCopy(const ZT_POINT_2U& start, const ZT_SIZE_U& end);
    void CleanUp();
};

}  // namespace Varn

#endif /* __cplusplus */

#endif /* ZOTREL_GEOMETRY_H */
