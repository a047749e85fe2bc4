"""Binary128 numbers as 128-bit integers, read exactly into mpmath: shared by the accuracy scripts."""
import mpmath


def value(bits):
    """The exact value of the binary128 number with these bits (finite)."""
    sign = bits >> 127
    field = (bits >> 112) & 0x7FFF
    fraction = bits & ((1 << 112) - 1)
    if field == 0:
        v = mpmath.ldexp(fraction, -16382 - 112)
    else:
        v = mpmath.ldexp(fraction | (1 << 112), field - 16383 - 112)
    return -v if sign else v


def ulp(bits):
    """The unit in the last place of the binary128 number with these bits."""
    field = (bits >> 112) & 0x7FFF
    return mpmath.ldexp(1, max(field, 1) - 16383 - 112)
