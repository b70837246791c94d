.pragma library

// A fraction as the window writes percentages: the sign first, the Turkish order, and the
// number truncated, not rounded: 0.999 is still "%99", 0.57 is "%56" (0.57 × 100 falls just
// short of 57), only 1 is "%100".
function text(fraction) {
    return "%" + Math.trunc(fraction * 100)
}
