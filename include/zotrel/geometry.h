/* Zotrel geometry: points, sizes and rectangles in float coordinates, with integer companions.
 *
 * Three plain records of 32-bit floats carry two-dimensional graphics
 * coordinates (`ZT_POINT_2F`, `ZT_SIZE_F`, `ZT_RECT_F`), and three records of
 * unsigned 32-bit integers carry the same for callers that work in whole
 * pixels (`ZT_POINT_2U`, `ZT_SIZE_U`, `ZT_RECT_U`). The value classes
 * `CZtPoint`, `CZtSize` and `CZtRect` derive from the float records, so their
 * fields are the record's fields and a class object can be passed wherever
 * its record is expected. They keep floats and convert to and from the
 * integer records on request. All arithmetic is single precision, field by
 * field.
 *
 * A rectangle is given by two corners, not by an origin and an extent:
 * `left`/`top` is the start corner, `right`/`bottom` the end corner, and the
 * width and height are the absolute differences. A rectangle is half-open:
 * its start edges belong to it, its end edges do not.
 *
 *     Varn::CZtRect frame(10, 20, 30, 60);      // width 20, height 40
 *     bool in = frame.Contains(10, 20);         // true: start edges belong
 *     bool out = frame.Contains(30, 20);        // false: end edges do not
 *     Varn::ZT_RECT_U pixels = frame;           // (10, 20, 30, 60)
 *
 * Conversions between the records:
 *  - integer to float: the exact unsigned value rounded to the nearest float
 *    (4294967295 becomes 4294967296.0f);
 *  - float to integer: truncated toward zero and reduced modulo 2^32, which
 *    is the low 32 bits of the 64-bit truncation (-1.0 becomes 0xFFFFFFFF,
 *    3.9 becomes 3, 2^32 + 512 becomes 512). Every finite float of magnitude
 *    2^55 or more is a multiple of 2^32 and converts to 0; the infinities
 *    convert to 0 like their finite neighbours, and NaN converts to 0.
 *
 * Ownership: the objects hold no resources. `CZtRect::Clone` allocates with
 * the global `new`; the caller deletes the copy.
 *
 * Threads: no shared state. An object is a value used by one thread at a
 * time.
 *
 * Members that take a pointer treat a null pointer as documented per member:
 * a constructor then gives the zero value and an assignment changes nothing.
 *
 * The records also compile as C11.
 */

#ifndef ZOTREL_GEOMETRY_H
#define ZOTREL_GEOMETRY_H

#include <zotrel/foundation.h>

ZOTREL_NAMESPACE_BEGIN

/* A point: 8 bytes. */
typedef struct ZT_POINT_2F {
    float x;
    float y;
} ZT_POINT_2F;

/* A size: 8 bytes. Also carries an end corner where a member says so. */
typedef struct ZT_SIZE_F {
    float width;
    float height;
} ZT_SIZE_F;

/* A rectangle by its two corners: 16 bytes. */
typedef struct ZT_RECT_F {
    float left;   /* start corner */
    float top;    /* start corner */
    float right;  /* end corner */
    float bottom; /* end corner */
} ZT_RECT_F;

/* A point in whole pixels: 8 bytes. */
typedef struct ZT_POINT_2U {
    unsigned int x;
    unsigned int y;
} ZT_POINT_2U;

/* A size in whole pixels: 8 bytes. */
typedef struct ZT_SIZE_U {
    unsigned int width;
    unsigned int height;
} ZT_SIZE_U;

/* A rectangle in whole pixels by its two corners: 16 bytes. */
typedef struct ZT_RECT_U {
    unsigned int left;
    unsigned int top;
    unsigned int right;
    unsigned int bottom;
} ZT_RECT_U;

ZOTREL_NAMESPACE_END

#ifdef __cplusplus

namespace Varn {

/// A point in float coordinates.
class ZOTREL_EXPORT CZtPoint : public ZT_POINT_2F {
public:
    /// (0, 0).
    CZtPoint();
    CZtPoint(float x, float y);
    CZtPoint(const CZtPoint& other);
    /// A copy; (0, 0) for null.
    CZtPoint(const CZtPoint* other);
    CZtPoint(const ZT_POINT_2F& other);
    /// A copy; (0, 0) for null.
    CZtPoint(const ZT_POINT_2F* other);
    /// The converted integer point.
    CZtPoint(const ZT_POINT_2U& other);
    /// The converted integer point; (0, 0) for null.
    CZtPoint(const ZT_POINT_2U* other);
    virtual ~CZtPoint();

    CZtPoint& operator=(const CZtPoint& other);
    /// A copy; null and self change nothing.
    CZtPoint& operator=(const CZtPoint* other);
    CZtPoint& operator=(const ZT_POINT_2F& other);
    /// A copy; null changes nothing.
    CZtPoint& operator=(const ZT_POINT_2F* other);
    /// The converted integer point.
    CZtPoint& operator=(const ZT_POINT_2U& other);
    /// The converted integer point; null changes nothing.
    CZtPoint& operator=(const ZT_POINT_2U* other);

    /// As the assignments.
    void SetPoint(const CZtPoint& other);
    void SetPoint(const ZT_POINT_2F& other);
    void SetPoint(const ZT_POINT_2U& other);

    /// Writes x and y into `out` (converted for the integer record).
    void GetPoint(CZtPoint& out) const;
    void GetPoint(ZT_POINT_2F& out) const;
    void GetPoint(ZT_POINT_2U& out) const;
    /// The point converted to whole pixels.
    operator ZT_POINT_2U() const;

    float GetX() const;
    float GetY() const;

    /// Component-wise sum and difference (integer points converted first).
    CZtPoint operator+(const CZtPoint& other) const;
    CZtPoint operator+(const ZT_POINT_2F& other) const;
    CZtPoint operator+(const ZT_POINT_2U& other) const;
    CZtPoint operator-(const CZtPoint& other) const;
    CZtPoint operator-(const ZT_POINT_2F& other) const;
    CZtPoint operator-(const ZT_POINT_2U& other) const;
    CZtPoint& operator+=(const CZtPoint& other);
    CZtPoint& operator+=(const ZT_POINT_2F& other);
    CZtPoint& operator+=(const ZT_POINT_2U& other);
    CZtPoint& operator-=(const CZtPoint& other);
    CZtPoint& operator-=(const ZT_POINT_2F& other);
    CZtPoint& operator-=(const ZT_POINT_2U& other);
    /// Both coordinates times `factor`.
    CZtPoint operator*(const float& factor) const;

    /// Adds `dx` to x and `dy` to y.
    void Offset(float dx, float dy);
    void Offset(const CZtPoint& delta);

    /// Exact equality of both coordinates; integer points are converted to
    /// float first.
    bool Equals(const CZtPoint& other) const;
    bool Equals(const ZT_POINT_2F& other) const;
    bool Equals(const ZT_POINT_2U& other) const;
    bool operator==(const CZtPoint& other) const;
    bool operator==(const ZT_POINT_2F& other) const;
    bool operator==(const ZT_POINT_2U& other) const;

private:
    void Init(float x, float y);
    void MakeDeepCopy(const CZtPoint& other);
    void MakeDeepCopy(const ZT_POINT_2F& other);
    void MakeDeepCopy(const ZT_POINT_2U& other);
    void CleanUp();
};

/// A size (width and height) in float coordinates.
class ZOTREL_EXPORT CZtSize : public ZT_SIZE_F {
public:
    /// (0, 0).
    CZtSize();
    CZtSize(float width, float height);
    CZtSize(const CZtSize& other);
    /// A copy; (0, 0) for null.
    CZtSize(const CZtSize* other);
    CZtSize(const ZT_SIZE_F& other);
    /// A copy; (0, 0) for null.
    CZtSize(const ZT_SIZE_F* other);
    /// The converted integer size.
    CZtSize(const ZT_SIZE_U& other);
    /// The converted integer size; (0, 0) for null.
    CZtSize(const ZT_SIZE_U* other);
    /// width = right - left, height = bottom - top: signed.
    CZtSize(const ZT_RECT_F& rect);
    /// As above; (0, 0) for null.
    CZtSize(const ZT_RECT_F* rect);
    /// width = right - left, height = bottom - top in unsigned 32-bit
    /// arithmetic, then converted to float: an end edge before its start edge
    /// wraps around (right 5, left 10 gives 4294967291, read as 4294967296.0f).
    CZtSize(const ZT_RECT_U& rect);
    /// As above; (0, 0) for null.
    CZtSize(const ZT_RECT_U* rect);
    virtual ~CZtSize();

    /// As the matching constructor. The pointer forms change nothing for
    /// null, and `operator=(const CZtSize*)` nothing for itself either.
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

    /// As the assignments.
    void SetSize(const ZT_SIZE_F& other);
    void SetSize(const ZT_SIZE_U& other);
    /// Writes width and height into `out` (converted for the integer record).
    void GetSize(ZT_SIZE_F& out) const;
    void GetSize(ZT_SIZE_U& out) const;
    /// The size converted to whole pixels.
    operator ZT_SIZE_U() const;

    float GetWidth() const;
    float GetHeight() const;

    /// Field-wise sum and difference (integer sizes converted first).
    CZtSize operator+(const CZtSize& other) const;
    CZtSize operator+(const ZT_SIZE_F& other) const;
    CZtSize operator+(const ZT_SIZE_U& other) const;
    CZtSize operator-(const CZtSize& other) const;
    CZtSize operator-(const ZT_SIZE_F& other) const;
    CZtSize operator-(const ZT_SIZE_U& other) const;
    CZtSize& operator+=(const CZtSize& other);
    CZtSize& operator+=(const ZT_SIZE_F& other);
    CZtSize& operator+=(const ZT_SIZE_U& other);
    CZtSize& operator-=(const CZtSize& other);
    CZtSize& operator-=(const ZT_SIZE_F& other);
    CZtSize& operator-=(const ZT_SIZE_U& other);

    /// Exact equality of both fields; integer sizes are converted to float
    /// first.
    bool Equals(const CZtSize& other) const;
    bool Equals(const ZT_SIZE_F& other) const;
    bool Equals(const ZT_SIZE_U& other) const;
    bool operator==(const CZtSize& other) const;
    bool operator==(const ZT_SIZE_F& other) const;
    bool operator==(const ZT_SIZE_U& other) const;

    /// Both fields times `factor`.
    void Multiply(float factor);
    /// (0, 0).
    void Reset();
    /// True when width and height are both exactly 0.
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
/// (`right`, `bottom`). Nothing normalises the corners unless
/// `NormalizeRect` is called; widths and heights are absolute differences.
class ZOTREL_EXPORT CZtRect : public ZT_RECT_F {
public:
    /// (0, 0, 0, 0).
    CZtRect();
    /// The four edges in argument order, not normalised.
    CZtRect(float left, float top, float right, float bottom);
    CZtRect(const CZtRect& other);
    /// A copy; (0, 0, 0, 0) for null.
    CZtRect(const CZtRect* other);
    CZtRect(const ZT_RECT_F& other);
    /// A copy; (0, 0, 0, 0) for null.
    CZtRect(const ZT_RECT_F* other);
    /// The converted integer rectangle.
    CZtRect(const ZT_RECT_U& other);
    /// The converted integer rectangle; (0, 0, 0, 0) for null.
    CZtRect(const ZT_RECT_U* other);
    /// (start.x, start.y, end.width, end.height): the size record carries
    /// the end corner, not an extent.
    CZtRect(const ZT_POINT_2F& start, const ZT_SIZE_F& end);
    CZtRect(const ZT_POINT_2U& start, const ZT_SIZE_U& end);
    /// As above; (0, 0, 0, 0) when either pointer is null.
    CZtRect(const ZT_POINT_2F* start, const ZT_SIZE_F* end);
    CZtRect(const ZT_POINT_2U* start, const ZT_SIZE_U* end);
    virtual ~CZtRect();

    /// Copies (converted for the integer record). The pointer forms change
    /// nothing for null, and `operator=(const CZtRect*)` nothing for itself.
    CZtRect& operator=(const CZtRect& other);
    CZtRect& operator=(const CZtRect* other);
    CZtRect& operator=(const ZT_RECT_F& other);
    CZtRect& operator=(const ZT_RECT_F* other);
    CZtRect& operator=(const ZT_RECT_U& other);
    CZtRect& operator=(const ZT_RECT_U* other);
    /// (0, 0, width, height); the pointer forms change nothing for null.
    CZtRect& operator=(const ZT_SIZE_F& size);
    CZtRect& operator=(const ZT_SIZE_F* size);
    CZtRect& operator=(const ZT_SIZE_U& size);
    CZtRect& operator=(const ZT_SIZE_U* size);
    void SetRect(const ZT_RECT_F& other);
    void SetRect(const ZT_RECT_U& other);

    /// Writes the four edges into `out` (converted for the integer record).
    void GetRect(ZT_RECT_F& out) const;
    void GetRect(ZT_RECT_U& out) const;
    /// The rectangle converted to whole pixels.
    operator ZT_RECT_U() const;

    /// A new rectangle with the same edges, from the global `new`; the caller
    /// deletes it.
    CZtRect* Clone() const;

    /// `left` and `top`. The setters move the start edge only: `right` and
    /// `bottom` stay, so the width or height changes.
    float GetX() const;
    float GetY() const;
    void SetX(float x);
    void SetY(float y);

    /// |right - left| and |bottom - top|.
    float GetWidth() const;
    float GetHeight() const;
    /// right = left + `width`; bottom = top + `height`.
    void SetWidth(float width);
    void SetHeight(float height);

    /// (left, top) into a point or a size.
    void GetLocation(CZtPoint& out) const;
    void GetLocationSize(CZtSize& out) const;
    /// (right, bottom) into a point or a size.
    void GetEndLocation(CZtPoint& out) const;
    void GetEndLocationSize(CZtSize& out) const;
    /// (width, height).
    void GetSize(CZtSize& out) const;
    /// (0, 0, width, height).
    void GetLocationRect(CZtRect& out) const;
    /// A copy of the four edges.
    void GetBounds(CZtRect& out) const;

    /// (left, top).
    CZtPoint Origin() const;
    /// (width / 2, height / 2): the centre relative to the start corner.
    CZtPoint Center() const;
    /// (left + width / 2, top + height / 2).
    CZtPoint CenterAbsolute() const;

    /// left -= dx, top -= dy, right += dx, bottom += dy.
    void Inflate(float dx, float dy);
    /// left += dx, top += dy, right -= dx, bottom -= dy.
    void Deflate(float dx, float dy);
    /// Moves all four edges.
    void Offset(float dx, float dy);
    void Offset(const CZtPoint& delta);

    /// (0, 0, 0, 0).
    void Empty();
    /// True when the width or the height is not above 2^-23 (the
    /// single-precision epsilon, 1.1920928955078125e-07); a NaN width or
    /// height counts as empty.
    bool IsEmptyArea() const;

    /// Exact equality of all four edges; integer edges are converted to float
    /// first.
    bool Equals(const CZtRect& other) const;
    bool Equals(const ZT_RECT_F& other) const;
    bool Equals(const ZT_RECT_U& other) const;
    bool operator==(const CZtRect& other) const;
    bool operator==(const ZT_RECT_F& other) const;
    bool operator==(const ZT_RECT_U& other) const;

    /// left <= x < right and top <= y < bottom: the start edges belong to the
    /// rectangle, the end edges do not. False for a rectangle whose corners
    /// are crossed (see `NormalizeRect`).
    bool Contains(float x, float y) const;
    bool Contains(const CZtPoint& point) const;
    /// r.left >= left, r.top >= top, r.right <= right, r.bottom <= bottom
    /// (all inclusive).
    bool Contains(const CZtRect& r) const;
    /// True when the two rectangles really overlap: r.right > left,
    /// r.bottom > top, r.left < right and r.top < bottom (all strict).
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
    /// `Intersect(*this, r, *this)`.
    bool Intersect(const CZtRect& r);
    /// `out` = (min left, min top, max right, max bottom); returns
    /// `!out.IsEmptyArea()`. `out` may be `a` or `b`.
    static bool Union(const CZtRect& a, const CZtRect& b, CZtRect& out);

    /// Swaps top and bottom when bottom < top, and left and right when
    /// right < left.
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
