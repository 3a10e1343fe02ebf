// Package blocks (in the making).
